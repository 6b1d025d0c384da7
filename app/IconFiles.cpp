// quorrel-icons FOLDER NAME: writes the program's icon as an icon theme
// wants it, FOLDER/<size>x<size>/apps/NAME.png and FOLDER/scalable/apps/NAME.svg.
// Run by the build; needs no display.
#include "app/Artwork.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: quorrel-icons FOLDER NAME\n");
    return 2;
  }
  const std::filesystem::path folder(argv[1]);
  const std::string name(argv[2]);
  wxImage::AddHandler(new wxPNGHandler);
  std::error_code error;
  for (const int size : Artwork::kIconSizes) {
    const std::string square = std::to_string(size) + "x" + std::to_string(size);
    std::filesystem::create_directories(folder / square / "apps", error);
    const std::string path = (folder / square / "apps" / (name + ".png")).string();
    if (!Artwork::ProgramIconImage(size).SaveFile(path, wxBITMAP_TYPE_PNG)) {
      std::fprintf(stderr, "quorrel-icons: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::filesystem::create_directories(folder / "scalable" / "apps", error);
  const std::string svgPath = (folder / "scalable" / "apps" / (name + ".svg")).string();
  std::ofstream svg(svgPath, std::ios::binary);
  svg << Artwork::ProgramIconSvg();
  if (!svg.flush()) {
    std::fprintf(stderr, "quorrel-icons: cannot write %s\n", svgPath.c_str());
    return 1;
  }
  return 0;
}
