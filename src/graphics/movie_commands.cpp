#include "graphics/movie_commands.h"

#include <string>

#include "core/handle.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/movie.h"
#include "platform/platform_runtime.h"
#include "startup/error.h"

namespace korva {
namespace {

// Programs lose their movies at every graphics mode change without being
// told, so a movie that is no longer open is answered as an ended one
// rather than read after it was freed.
Movie* liveMovie(int32_t handle) { return graphicsState.graphics->verifyMovie(objectOf<Movie>(handle)); }

}  // namespace

int32_t cmdOpenMovie(qyStr* file) {
    const std::string path = strTake(file);
    return handleOf(graphicsState.graphics->openMovie(path, PlatformRuntime::current()->audio()));
}

int32_t cmdDrawMovie(int32_t movie, int32_t x, int32_t y, int32_t width, int32_t height) {
    Movie* playing = liveMovie(movie);
    bool drawn = false;
    if (playing != nullptr)
        drawn = playing->draw(*graphicsState.buffer, x, y, width < 0 ? playing->width() : width,
                              height < 0 ? playing->height() : height);
    idleOrEnd();
    return drawn ? 1 : 0;
}

int32_t cmdMovieWidth(int32_t movie) {
    const Movie* open = liveMovie(movie);
    return open != nullptr ? open->width() : 0;
}

int32_t cmdMovieHeight(int32_t movie) {
    const Movie* open = liveMovie(movie);
    return open != nullptr ? open->height() : 0;
}

int32_t cmdMoviePlaying(int32_t movie) {
    const Movie* open = liveMovie(movie);
    return open != nullptr && open->playing() ? 1 : 0;
}

void cmdCloseMovie(int32_t movie) { graphicsState.graphics->closeMovie(objectOf<Movie>(movie)); }

}  // namespace korva
