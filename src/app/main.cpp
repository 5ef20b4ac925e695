// orvviewer: the slide show player.
#include "app/viewer_program.h"

int main(int argc, char** argv) { return orv::RunViewerProgram(argc, argv); }
