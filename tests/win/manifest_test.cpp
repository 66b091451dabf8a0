// What quillon.exe tells Windows about itself in its manifest. Wine shows every
// program the system DPI whatever it declares, so the declaration is read here.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/win/process_runner.h"

namespace {

std::string ProgramManifest() {
    HMODULE program = LoadLibraryExA(BuiltProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (program == nullptr) return "";
    std::string text;
    if (HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {  // RT_MANIFEST
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
        if (bytes != nullptr) text.assign(bytes, SizeofResource(program, found));
    }
    FreeLibrary(program);
    return text;
}

// The part of the text from the element's opening tag (its name and what follows it,
// as given) to its end, or "".
std::string Element(const std::string& text, const std::string& opening) {
    const std::string name = opening.substr(0, opening.find_first_of(" >"));
    const size_t start = text.find("<" + opening);
    const size_t end = text.find("</" + name + ">", start);
    if (start == std::string::npos || end == std::string::npos) return "";
    return text.substr(start, end - start);
}

// Vista and later then leave the scaling to the window (system DPI) instead of
// stretching a 96-dpi picture of it; XP reads nothing of this.
TEST(ProgramManifest, DeclaresTheProgramAwareOfTheSystemDpi) {
    const std::string manifest = ProgramManifest();
    ASSERT_NE(manifest, "");
    const std::string application = Element(manifest, "application xmlns=\"urn:schemas-microsoft-com:asm.v3\"");
    // The settings element itself in asm.v3, as the application element around it;
    // only the setting names the namespace of its generation.
    const std::string settings = Element(application, "windowsSettings>");
    EXPECT_NE(settings.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>"),
              std::string::npos)
        << manifest;
}

}  // namespace
