// kestrum-cli: Kestrum's test from a terminal, for scripts and machines without a desktop.
#include "cli/cli_run.h"

int main(int argc, char* argv[]) { return RunCli(argc, argv); }
