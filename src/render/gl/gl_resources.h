// Bookkeeping shared by a GL renderer and the objects it made. Objects may be released on
// any thread, while GL names can only be deleted with the context current: released names
// wait in a bin that the renderer empties whenever it is in use. Once the renderer is gone
// the context took every name with it and the bin is ignored.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <mutex>
#include <vector>

#include "base/ref_object.h"

namespace orv::gl {

enum class TNameKind { Texture, Framebuffer, Buffer, VertexArray, Program };

class TGLResources : public TRefObject {
public:
  // Reserves texture memory; false when the budget would be exceeded.
  bool Reserve(std::size_t bytes);
  void Unreserve(std::size_t bytes);
  std::size_t UsedBytes() const;

  void Discard(TNameKind kind, GLuint name);
  // Deletes the discarded names (context current).
  void EmptyBin();
  // The context is going: forget everything.
  void Abandon();
  bool IsAlive() const;

private:
  struct TDiscarded {
    TNameKind Kind;
    GLuint Name;
  };
  mutable std::mutex FLock;
  std::vector<TDiscarded> FBin;
  std::size_t FUsed = 0;
  bool FAlive = true;
};

}  // namespace orv::gl
