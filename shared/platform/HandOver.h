#pragma once
// The places where one thread hands work to another. A test can set a pause that runs at each,
// so that the threads meet in orders they seldom take by themselves: a maker that lags right
// after handing rows over, a reader that lags right after taking them. Unset, a place costs one
// load.
namespace handover {

enum class Side { Given, Taken };
using Pause = void (*)(Side side);

// For tests only; null takes the pause away. Set it while no hand-over is under way.
void SetTestPause(Pause pause);
void At(Side side);

}  // namespace handover
