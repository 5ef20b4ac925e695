// compose_raw_gl FRAMES: the least a GL program can do for the compose bench — two
// 1920 × 1080 textures drawn as two quads over a 1920 × 1080 off-screen window, the second
// blended at 50 % opacity, FRAMES times — and the frames per second it reaches.
#include <SDL.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

const char* const kVertex = R"(#version 330 core
layout(location = 0) in vec2 aPosition;
out vec2 vTex;
void main() { vTex = vec2(aPosition.x, 1.0 - aPosition.y); gl_Position = vec4(aPosition * 2.0 - 1.0, 0.0, 1.0); })";
const char* const kFragment = R"(#version 330 core
uniform sampler2D image;
uniform float opacity;
in vec2 vTex;
out vec4 fragColor;
void main() { vec4 c = texture(image, vTex); fragColor = vec4(c.rgb * c.a, c.a) * opacity; })";

GLuint Shader(GLenum kind, const char* source) {
  GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

GLuint Texture(unsigned seed) {
  std::vector<unsigned> pixels(std::size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      pixels[std::size_t(y) * kWidth + x] = 0xFF000000u | ((unsigned(x) * 7 + unsigned(y) * 3 + seed) * 2654435761u >> 8);
  GLuint texture;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  return texture;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_Window* window = SDL_CreateWindow("raw", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window || !SDL_GL_CreateContext(window)) return 1;
  SDL_GL_SetSwapInterval(0);

  const GLuint program = glCreateProgram();
  glAttachShader(program, Shader(GL_VERTEX_SHADER, kVertex));
  glAttachShader(program, Shader(GL_FRAGMENT_SHADER, kFragment));
  glLinkProgram(program);
  glUseProgram(program);
  const GLint opacity = glGetUniformLocation(program, "opacity");
  const float quad[] = {0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1};
  GLuint vao, vbo;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(1, &vbo);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  const GLuint textures[2] = {Texture(1), Texture(2)};
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glViewport(0, 0, kWidth, kHeight);

  const auto frame = [&] {
    for (int i = 0; i < 2; ++i) {
      glBindTexture(GL_TEXTURE_2D, textures[i]);
      glUniform1f(opacity, i == 0 ? 1.0f : 0.5f);
      glDrawArrays(GL_TRIANGLES, 0, 6);
    }
    SDL_GL_SwapWindow(window);
  };
  for (int i = 0; i < 3; ++i) frame();
  glFinish();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) frame();
  glFinish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.2f\n", frames / seconds);
  SDL_Quit();
  return 0;
}
