// The program's entry sequence, from the ownership path to the final process status.
#pragma once

// Runs the program with its command line. Returns the status of the early exits (help, start-up
// failures, missing batch file); after a successful start-up it ends the process itself with
// status 0, or 255 when any command failed.
int RunVelmarUtil(int argc, char** argv);
