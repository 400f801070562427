#include "app/program_main.h"

int main(int argc, char** argv) {
  return dorvane::run_program(argc, argv);
}
