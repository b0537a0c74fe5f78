#include "commands/Cli.h"

int main(int argc, char** argv) { return brenvik::RunCli(argc, argv); }
