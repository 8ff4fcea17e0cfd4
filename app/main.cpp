#include "app/Startup.h"

int main(int argc, char** argv) { return kestrion::RunMain(argc, argv); }
