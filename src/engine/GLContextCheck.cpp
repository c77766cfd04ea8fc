#include "GLContextCheck.h"

#include <SDL.h>

bool hasCurrentGLContext() { return SDL_GL_GetCurrentContext() != nullptr; }
