#include "LumbrelProgram.h"
#include "RunProgram.h"

int main(int argc, char** argv) { return app::RunProgram(argc, argv, LumbrelProgram()); }
