// The creator chain: class words to object classes.
#include <mutex>
#include <vector>

#include "slide/orv_box.h"
#include "slide/orv_button.h"
#include "slide/orv_image.h"
#include "slide/orv_mask.h"

namespace orv {
namespace {

template <class T>
Ref<TOrvObject> Make(TOrvObject& parent, Ref<TOrvObjectProps> node) {
  return MakeRef<T>(&parent, std::move(node));
}

Ref<TOrvObject> CreateBaseObject(std::string_view word, TOrvObject& parent, Ref<TOrvObjectProps> node) {
  if (word == "image") return Make<TOrvImage>(parent, std::move(node));
  if (word == "box") return Make<TOrvBox>(parent, std::move(node));
  if (word == "text" || word == "textcomment") return Make<TOrvText>(parent, std::move(node));
  if (word == "button") return Make<TOrvButton>(parent, std::move(node));
  if (word == "frame") return Make<TOrvFrame>(parent, std::move(node));
  return nullptr;
}

Ref<TOrvObject> CreateMaskObject(std::string_view word, TOrvObject& parent, Ref<TOrvObjectProps> node) {
  if (word == "viewport") return Make<TOrvViewPort>(parent, std::move(node));
  if (word == "maskstencil") return Make<TOrvMaskStencil>(parent, std::move(node));
  if (word == "maskcontent") return Make<TOrvMaskContent>(parent, std::move(node));
  return nullptr;
}

struct TCreatorChain {
  std::mutex Lock;
  std::vector<TObjectCreator> Creators{&CreateBaseObject, &CreateMaskObject};
};

TCreatorChain& Chain() {
  static TCreatorChain chain;
  return chain;
}

}  // namespace

void RegisterObjectCreator(TObjectCreator creator) {
  TCreatorChain& chain = Chain();
  std::lock_guard lock(chain.Lock);
  chain.Creators.push_back(creator);
}

Ref<TOrvObject> CreateOrvObject(std::string_view class_word, TOrvObject& parent, Ref<TOrvObjectProps> node) {
  TCreatorChain& chain = Chain();
  std::lock_guard lock(chain.Lock);
  for (auto creator = chain.Creators.rbegin(); creator != chain.Creators.rend(); ++creator)
    if (Ref<TOrvObject> object = (*creator)(class_word, parent, node)) return object;
  return nullptr;
}

}  // namespace orv
