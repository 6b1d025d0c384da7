// GoogleTest main for the window tests: a wxApp without a main loop; each
// modal dialog runs its own loop, and the tests pump pending events.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  // The program writes a start-with-the-session entry: never into the
  // tester's own desktop.
  std::string config = (std::filesystem::temp_directory_path() / "quorrel-window-tests-XXXXXX").string();
  if (::mkdtemp(config.data()) == nullptr) return 1;
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  wxApp::SetInstance(new wxApp);
  int wxArgc = 1;
  char* wxArgv[] = {argv[0], nullptr};
  if (!wxEntryStart(wxArgc, wxArgv)) return 1;
  wxTheApp->CallOnInit();
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  std::filesystem::remove_all(config);
  return result;
}
