#include "gui/Application.h"

int main(int argc, char** argv) { return brenvik::RunApplication(argc, argv); }
