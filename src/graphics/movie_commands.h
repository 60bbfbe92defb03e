// Commands on movies: opening, drawing the current picture into the current
// buffer, size and state, closing.
#pragma once

#include <cstdint>

#include "core/str_pool.h"

namespace korva {

int32_t cmdOpenMovie(qyStr* file);
int32_t cmdDrawMovie(int32_t movie, int32_t x, int32_t y, int32_t width, int32_t height);
int32_t cmdMovieWidth(int32_t movie);
int32_t cmdMovieHeight(int32_t movie);
int32_t cmdMoviePlaying(int32_t movie);
void cmdCloseMovie(int32_t movie);

}  // namespace korva
