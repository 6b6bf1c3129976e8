// The Java application's command line, and starting it hidden from the program folder.
#pragma once

#include <string>

#include "platform/processes.h"

namespace launcher {

inline constexpr wchar_t kMainClass[] = L"JavaSwingClasses.MainFrame";

// The Java launcher (the runtime's bin\java.exe, or java from the search path when
// javaHomePath is empty), -classpath with the application's ten entries below
// programFolder, then the main class.
std::wstring BuildJavaCommandLine(const std::wstring& javaHomePath,
                                  const std::wstring& programFolder);

// Starts the line hidden with the program folder as the current folder, then makes the
// previous current folder current again. A failed start raises and leaves the folder set.
void StartJavaApplication(platform::Processes& processes, const std::wstring& commandLine);

}  // namespace launcher
