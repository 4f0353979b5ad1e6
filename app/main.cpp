// Program entry of VelmarUtil and the entry the engine looks up in the program file.
#include "app/EntryPoint.h"

// Called by the engine to create the program's mesh resource types and material plug-ins. The
// mesh and material resources are not part of this program yet, so there is nothing to register.
extern "C" __attribute__((visibility("default"), used)) void NoxGetPlugins() {}

int main(int argc, char** argv) { return RunVelmarUtil(argc, argv); }
