// All the fakes wired together the way the program wires the real platform.
#pragma once

#include <memory>
#include <string>

#include "runtime/mod_main.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_platform.h"
#include "tests/fakes/fake_registry.h"

inline const std::string kRuntimesKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";

struct TestWorld {
    TestWorld() { registry.faults = files->faults = boxes.faults = processes.faults = window.faults = &faults; }
    // Every box: a single OK button, no icon, MB_SETFOREGROUND | MB_TOPMOST, as it has no owner.
    ~TestWorld() {
        for (unsigned style : boxes.styles) EXPECT_EQ(style, 0x00050000u) << "a box's style";
    }
    TestWorld(const TestWorld&) = delete;
    TestWorld& operator=(const TestWorld&) = delete;

    FaultPlan faults;  // counts every platform call; makes the one it names fail
    EventLog log;
    FakeRegistry registry;
    std::shared_ptr<FakeFileSystem> files = std::make_shared<FakeFileSystem>();
    FakeMessageBoxes boxes{log};
    FakeProgramControl control{log};
    FakeProcesses processes{log};
    FakeSplashWindow window{log};
    int fileSystemsCreated = 0;
    mod_main::ModMain modMain{registry,
                              [this]() -> platform::FileSystem& {
                                  ++fileSystemsCreated;
                                  return *files;
                              },
                              boxes, control};

    // A runtime's key with its JavaHome value.
    void AddRuntime(const std::string& version, const std::string& home) {
        registry.SetText(kRuntimesKey + "\\" + version, "JavaHome", home);
    }

    // The four support files in the source folder; read-only when they came from a CD.
    void AddSupportSources(bool readOnly = false) {
        for (const wchar_t* name : {L"Comm.jar", L"javax.comm.properties", L"Win32com.dll", L"jdc.jar"}) {
            files->AddFile(std::wstring(L"C:\\sorvel\\GsmModemJar\\") + name, "new " + Narrow(name), readOnly);
        }
    }

    // A runtime as its own installer leaves it: bin\java.exe for machine (0x14C x86, 0x8664
    // x64), the release file and, for Java 8 and older, lib\ext.
    void AddJavaAt(const std::wstring& home, unsigned machine, const std::string& version) {
        std::string program = "MZ" + std::string(0x3E, '\0') + std::string("PE\0\0", 4);
        program[0x3C] = 0x40;
        files->AddFile(home + L"\\bin\\java.exe", program + char(machine & 0xFF) + char(machine >> 8));
        files->AddFile(home + L"\\release", "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"" + version + "\"\n");
        if (version.rfind("1.", 0) == 0) files->AddFolder(home + L"\\lib\\ext");
    }

    // A runtime folder with bin, lib and lib\ext.
    void AddRuntimeFolders(const std::wstring& home) {
        files->AddFolder(home + L"\\bin");
        files->AddFolder(home + L"\\lib\\ext");
    }
};
