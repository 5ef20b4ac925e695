// The services every slide of one show shares: the show's files, the pictures that are made
// rather than read (buttons, shadows, text, masks, transition-buffer stand-ins), and what the
// engine tells the slides about the viewer.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "base/ref_object.h"
#include "base/text.h"
#include "image/bitmap_store.h"
#include "image/image.h"
#include "package/file_accessor.h"
#include "project/ini_values.h"
#include "render/render_types.h"
#include "slide/button_producer.h"

namespace orv {

class TOrvObject;

// What the engine tells the slides, through the slide loader.
struct TSlideHostCallbacks {
  // The size of the transition buffer, for "SlideEffectBuffer" pictures. Required.
  std::function<TIntPair()> EffectBufferSize;
  // The engine's effect resource N, for "EffectResource" pictures; may be unset.
  std::function<Ref<TImage>(int number)> EffectResource;
  // The viewer's position in slide space (the screen's pixels; the viewer looks along +z).
  // Required.
  std::function<TPoint3F()> CameraPosition;
  // Whether an object whose frame is flat may still be hit; unset means no.
  std::function<bool(const TOrvObject&)> AcceptsFlatHit;
  // Whether frames are rendered for their exact time (export, snapshots), so that what
  // they show may be waited for; unset means no.
  std::function<bool()> RendersExactly;
};

// Makes the picture of a synthetic name, or nothing.
using TPictureGenerator = std::function<Ref<TSysBitmapStore>(const WideString& name)>;

// Prefixes of synthetic picture names (compared exactly, with case).
namespace picture_prefix {
inline constexpr std::u16string_view kButton = u"Button: ";
inline constexpr std::u16string_view kShadow = u"Shadow: ";
inline constexpr std::u16string_view kText = u"Text: ";
inline constexpr std::u16string_view kMask = u"Mask: ";
inline constexpr std::u16string_view kPresetedMask = u"PresetedMask:";
inline constexpr std::u16string_view kSlideEffectBuffer = u"SlideEffectBuffer";
inline constexpr std::u16string_view kEffectResource = u"EffectResource";
inline constexpr std::u16string_view kTextWithSize = u"TextWithSize:";
}  // namespace picture_prefix

class TOrvSlideHost : public TRefObject {
public:
  // Reads the package file "ExeGUID", the font cache's key. Both required callbacks must be
  // set (assertion).
  TOrvSlideHost(Ref<TFileAccessor> accessor, TSlideHostCallbacks callbacks, WideString button_folder = {});

  TFileAccessor& Accessor() const noexcept { return *FAccessor; }
  // Where button themes live: the theme name and "\btn.ini" follow.
  const WideString& ButtonFolder() const noexcept { return FButtonFolder; }
  // The button themes of the show, read from ButtonFolder.
  TButtonProducerHost& ButtonProducers() const noexcept { return *FButtonProducers; }
  // The text of "ExeGUID", empty without one.
  const std::string& ExeGuid() const noexcept { return FExeGuid; }

  // Multiplies the sizes pictures are loaded for.
  double HostScale() const noexcept { return FHostScale; }
  void SetHostScale(double scale) { FHostScale = scale; }

  TIntPair EffectBufferSize() const { return FCallbacks.EffectBufferSize(); }
  TPoint3F CameraPosition() const { return FCallbacks.CameraPosition(); }
  bool AcceptsFlatHit(const TOrvObject& object) const {
    return FCallbacks.AcceptsFlatHit && FCallbacks.AcceptsFlatHit(object);
  }
  bool RendersExactly() const { return FCallbacks.RendersExactly && FCallbacks.RendersExactly(); }

  // What several objects share (the decoder of a video clip), under a key: the one kept,
  // or the one `make` makes (kept unless null). Any thread.
  Ref<TRefObject> SharedResource(const std::string& key, const std::function<Ref<TRefObject>()>& make);
  // A sharer lets go of its reference first; the last one gone lets the host drop it.
  void LeaveSharedResource(const std::string& key);

  // The generator of the names that start with `prefix` (one of picture_prefix), replacing
  // any before it; set before slides are built, since loader threads read the generators.
  // A synthetic name whose generator is not set makes no picture.
  void SetGenerator(std::u16string_view prefix, TPictureGenerator generator);

  // The picture an object asks for: made by its generator when the name is synthetic, else
  // the file through the picture cache. Nothing when it cannot be had.
  Ref<TImage> GetPicture(const WideString& name) const;

  // The synthetic prefix `name` starts with, or empty.
  static std::u16string_view SyntheticPrefix(WideView name);

private:
  struct TGeneratorEntry {
    std::u16string_view Prefix;
    TPictureGenerator Generator;
  };

  Ref<TSysBitmapStore> MakeEffectBuffer(const WideString& name) const;
  Ref<TSysBitmapStore> MakeEffectResource(const WideString& name) const;

  Ref<TFileAccessor> FAccessor;
  TSlideHostCallbacks FCallbacks;
  WideString FButtonFolder;
  Ref<TButtonProducerHost> FButtonProducers;
  std::string FExeGuid;
  double FHostScale = 1;
  std::vector<TGeneratorEntry> FGenerators;
  std::mutex FSharedLock;
  std::unordered_map<std::string, Ref<TRefObject>> FShared;
};

}  // namespace orv
