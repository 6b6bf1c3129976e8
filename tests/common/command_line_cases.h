// One table of runtime and program folders for the command-line tests: checked natively by
// splitting the built line, and under Wine by starting it and reading what the child got.
#pragma once

#include <string>
#include <vector>

struct CommandLineCase {
    const wchar_t* name;
    const wchar_t* javaHome;       // below the test's base folder; empty: java from the path
    const wchar_t* programFolder;  // below the test's base folder
};

// clang-format off
inline constexpr CommandLineCase kCommandLineCases[] = {
    {L"plain", L"jre6", L"Sms"},
    {L"default install folder", L"Program Files\\Java\\jre1.6.0_05", L"Sms"},
    {L"program folder with blanks", L"jre6", L"My Tools\\Sms"},
    {L"blanks in both, doubled", L"Java  Two\\jre 6", L"My  Tools\\S m s"},
    {L"java from the search path", L"", L"My Tools\\Sms"},
};
// clang-format on

// clang-format off
inline const wchar_t* const kClassPathEntries[] = {
    L"\\PelmoraHuaweiEC325\\lib\\comm.jar",
    L"\\PelmoraHuaweiEC325\\lib\\jdc.jar",
    L"\\PelmoraHuaweiEC325\\lib\\jxl.jar",
    L"\\PelmoraHuaweiEC325\\lib\\log4j-1.2.8.jar",
    L"\\PelmoraHuaweiEC325\\lib\\slf4j-api-1.1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\slf4j-log4j12-1.1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\slf4j-simple-1.1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\swing-layout-1.0.jar",
    L"\\PelmoraHuaweiEC325\\lib\\win32com.dll.jar",
    L"\\PelmoraHuaweiEC325",
};
// clang-format on

// The arguments the Java launcher must see for a runtime folder and a program folder.
inline std::vector<std::wstring> ExpectedJavaArguments(const std::wstring& javaHome,
                                                       const std::wstring& programFolder) {
    std::wstring classPath;
    for (const wchar_t* entry : kClassPathEntries) {
        if (!classPath.empty()) classPath += L";";
        classPath += programFolder + entry;
    }
    const std::wstring launcher = javaHome.empty() ? L"java" : javaHome + L"\\bin\\java.exe";
    return {launcher, L"-classpath", classPath, L"JavaSwingClasses.MainFrame"};
}
