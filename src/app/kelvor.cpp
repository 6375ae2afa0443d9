// Kelvor: sound recorder, player and spectrum analyser.
#include "RunKelvor.h"

int main(int argc, char** argv) { return RunKelvor(argc, argv); }
