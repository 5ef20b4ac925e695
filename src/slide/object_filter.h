// The common base of image filters and animation modifiers: blocks nested in a key point,
// each with an identity and a revision so that a reloaded project keeps the objects (and
// their prepared state) of blocks that did not change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ref_object.h"
#include "base/text.h"
#include "project/ini_file.h"

namespace orv {

// What a filter needs of the colour table it transforms.
enum TFilterKind : int {
  kFilterPerChannel = 0,  // each channel maps on its own: a one-dimensional table suffices
  kFilterColorMixing = 1,  // channels mix: needs the three-dimensional table
  kFilterModifier = 2,     // an animation modifier, no colour work at all
};

class TObjectFilter : public TRefObject {
public:
  // Binds the filter to `block`. A filter that already has an identity accepts only a block
  // with the same "id" (without regard to case) and "$rev", and answers false otherwise so
  // that the caller builds a new one. Rebuilds when the revision is one not built yet.
  bool Load(TIniObject& block);

  // Transforms `width` × `rows` pixels (bytes blue, green, red, alpha) of a colour table.
  virtual void ApplyToTable(uint8_t* pixels, int width, int rows) const;
  // The modifier's new value (filters: 0).
  virtual double Evaluate();
  virtual int GetKind() const = 0;

  const std::string& Id() const noexcept { return FId; }
  int64_t Revision() const noexcept { return FRevision; }
  bool Disabled() const noexcept { return FDisabled; }
  // The last rebuild failed (an invalid formula, for a modifier).
  bool Failed() const noexcept { return FFailed; }
  const WideString& Caption() const noexcept { return FCaption; }
  void SetCaption(WideString caption) { FCaption = std::move(caption); }

protected:
  // Reads the parameters from Block(); false when they make no sense.
  virtual bool Rebuild() = 0;
  TIniObject& Block() const noexcept { return *FBlock; }

private:
  std::string FId;
  Ref<TIniObject> FBlock;
  int64_t FRevision = 0;
  std::optional<int64_t> FBuiltRevision;
  WideString FCaption;
  bool FFailed = false;
  bool FDisabled = false;
};

// Filters in the order they apply.
using TFilterChain = std::vector<Ref<TObjectFilter>>;

// Applies the chain's enabled filters in order.
void ApplyChain(const TFilterChain& chain, uint8_t* pixels, int width, int rows);
// The decimal sum of the revisions (empty for 0): a table built for one signature is
// stale once the signature changes.
std::string ChainSignature(const TFilterChain& chain);
// The largest kind in the chain; 0 for an empty one.
int ChainKind(const TFilterChain& chain);

// A new identity in the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string NewGuidText();

}  // namespace orv
