#include "render/gl/gl_resources.h"

#include "render/device.h"

namespace orv::gl {

bool TGLResources::Reserve(std::size_t bytes) {
  std::lock_guard lock(FLock);
  if (FUsed + bytes > EngineSettings().VideoMemoryBudget) return false;
  FUsed += bytes;
  return true;
}

void TGLResources::Unreserve(std::size_t bytes) {
  std::lock_guard lock(FLock);
  FUsed = bytes > FUsed ? 0 : FUsed - bytes;
}

std::size_t TGLResources::UsedBytes() const {
  std::lock_guard lock(FLock);
  return FUsed;
}

void TGLResources::Discard(TNameKind kind, GLuint name) {
  std::lock_guard lock(FLock);
  if (FAlive && name != 0) FBin.push_back({kind, name});
}

void TGLResources::EmptyBin() {
  std::vector<TDiscarded> bin;
  {
    std::lock_guard lock(FLock);
    bin.swap(FBin);
  }
  for (const TDiscarded& d : bin) {
    switch (d.Kind) {
      case TNameKind::Texture:
        glDeleteTextures(1, &d.Name);
        break;
      case TNameKind::Framebuffer:
        glDeleteFramebuffers(1, &d.Name);
        break;
      case TNameKind::Buffer:
        glDeleteBuffers(1, &d.Name);
        break;
      case TNameKind::VertexArray:
        glDeleteVertexArrays(1, &d.Name);
        break;
      case TNameKind::Program:
        glDeleteProgram(d.Name);
        break;
    }
  }
}

void TGLResources::Abandon() {
  std::lock_guard lock(FLock);
  FBin.clear();
  FUsed = 0;
  FAlive = false;
}

bool TGLResources::IsAlive() const {
  std::lock_guard lock(FLock);
  return FAlive;
}

}  // namespace orv::gl
