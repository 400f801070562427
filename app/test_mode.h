// The one test hook of the program. With DORVANE_TEST_AUTOCLOSE=1 in the environment the
// window closes itself right after start, every message box is closed as soon as it is
// shown (its title and text go to standard output), and the shutdown routine says on
// standard output that it ran. Tests of the program as a process use it; users never do.
#pragma once

namespace dorvane {

bool test_autoclose();

}  // namespace dorvane
