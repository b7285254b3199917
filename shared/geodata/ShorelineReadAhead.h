#pragma once
// ReadShorelines with the file read on one more thread and its points mapped and thinned on
// another, each a few batches ahead of the next. OnPoint and OnPolygon run on the calling thread,
// in file order, exactly as ReadShorelines makes them; Select runs on the reading thread, so it
// must not look at anything the other callbacks change.
//
// A failure of the reading thread reaches the caller as the same exception ReadShorelines
// throws, after every pixel read before it was handed over. A callback that throws stops the
// reading threads before the exception leaves. Without the threads it reads on this one.
#include <functional>
#include <string>

#include "GSHHSdata.h"

// meanwhile, when given, runs on the calling thread once the reading has started and before the
// first callback: work that must precede the drawing but not the reading.
ShorelineReadEnd ReadShorelinesAhead(const std::string& path, int width, int height,
                                     LongitudeWrap wrap, const ShorelineCallbacks& callbacks,
                                     const std::function<void()>& meanwhile = {});
