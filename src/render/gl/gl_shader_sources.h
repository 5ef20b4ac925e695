// GLSL 330 sources of every shader the renderer draws with.
#pragma once

#include <string>
#include <string_view>

namespace orv::gl {

// The vertex stage shared by all of them: camera transform, premultiplied colour, two
// sets of texture coordinates.
extern const char* const kVertexShader;

// The complete fragment source of a named shader; empty when there is no such shader.
std::string FragmentShaderSource(std::string_view name);

// The sampler names the fragment shaders use and the texture stage each is bound to.
struct TSamplerBinding {
  const char* Name;
  int Stage;
};
extern const TSamplerBinding kSamplerBindings[];
extern const int kSamplerBindingCount;

}  // namespace orv::gl
