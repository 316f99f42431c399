// Plain OpenGL helpers for the benchmarks' hand-written reference programs.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <epoxy/gl.h>

// Compiles and links a vertex/fragment pair; a reference that does not link ends the benchmark.
inline GLuint LinkReferenceProgram(const char* vertex, const char* fragment)
{
    const GLuint v = glCreateShader(GL_VERTEX_SHADER);
    glShaderSource(v, 1, &vertex, nullptr);
    glCompileShader(v);
    const GLuint f = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(f, 1, &fragment, nullptr);
    glCompileShader(f);
    const GLuint p = glCreateProgram();
    glAttachShader(p, v);
    glAttachShader(p, f);
    glLinkProgram(p);
    glDeleteShader(v);
    glDeleteShader(f);
    GLint ok = 0;
    glGetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        std::fprintf(stderr, "the reference program does not link\n");
        std::exit(1);
    }
    return p;
}
