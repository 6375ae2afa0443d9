// Kelvor: sound recorder, player and spectrum analyser.
#include "app/RunKelvor.h"

int main(int argc, char** argv) { return RunKelvor(argc, argv); }
