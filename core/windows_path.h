// The one place where a path of the program's texts becomes the path the
// operating system sees. The program keeps, shows and compares its paths as
// Windows paths in code page 936 ("C:\\Windows\\jedata.dll", "D:\\tessory\\");
// every file, folder and library call maps them here, at the last moment.
#pragma once

#include <string>
#include <string_view>

namespace dorvane {

// The path as the operating system names it, in UTF-8:
// - a leading drive "X:" (either case) becomes the drive folder of that letter
//   (drive_folder below), which is made on first use so a drive root always exists;
// - every "\\" becomes "/";
// - anything else passes through, so a relative path stays relative to the
//   current directory.
// The text is code page 936; Linux file names are UTF-8, so it is converted too.
std::string to_native_path(std::string_view windows_path);

// $XDG_DATA_HOME/dorvane/drive_<letter> (default ~/.local/share/dorvane/drive_<letter>),
// the letter in lower case. Nothing is created.
std::string drive_folder(char letter);

}  // namespace dorvane
