// The front-end module's entry point (FrontEndModule.h).
#include "FrontEndModule.h"
#include "RunWindowed.h"

extern "C" const FrontEnd* varnholt_front_end() {
    static const FrontEnd frontEnd{&app::RunWithQtApplication, &SaveVectorMap};
    return &frontEnd;
}
