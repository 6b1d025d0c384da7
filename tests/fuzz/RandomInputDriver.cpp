// Where libFuzzer is not available: feeds a fuzz target random variations
// of its seed files for a bounded time. Usage: driver SECONDS SEED_FOLDER
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SECONDS SEED_FOLDER\n", argv[0]);
    return 2;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[1]));
  std::vector<std::string> seeds{""};
  for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static const char kPieces[] = "<>/=?!\"'&;[] \r\n-";
  std::mt19937 random(12345);
  unsigned long runs = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    std::string input = seeds[random() % seeds.size()];
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = input.empty() ? 0 : random() % (input.size() + 1);
      switch (random() % 4) {
        case 0: input.insert(at, 1, kPieces[random() % (sizeof kPieces - 1)]); break;
        case 1: if (at < input.size()) input.erase(at, 1 + random() % 8); break;
        case 2: if (at < input.size()) input[at] = static_cast<char>(random()); break;
        default: input.insert(at, seeds[random() % seeds.size()].substr(0, 64)); break;
      }
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    ++runs;
  }
  std::printf("%lu inputs, no finding\n", runs);
  return 0;
}
