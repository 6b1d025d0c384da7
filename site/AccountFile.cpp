#include "site/AccountFile.h"

#include "site/Account.h"
#include "store/AtomicFile.h"

#include <cstdint>
#include <fstream>

namespace {

constexpr std::string_view kMagic = "Quorrel data v2.0";
constexpr std::uint32_t kFieldBuffer = 2048;

template <bool kScramble>
std::string Scramble(std::string_view text) {
  std::string out(text);
  std::uint16_t key = 50123;
  for (char& c : out) {
    const auto before = static_cast<std::uint8_t>(c);
    const auto after = static_cast<std::uint8_t>(before ^ (key >> 8));
    c = static_cast<char>(after);
    const std::uint16_t fed = kScramble ? after : before;
    key = static_cast<std::uint16_t>(19867u - (fed + key) * 14387u);
  }
  return out;
}

void AppendField(std::string& out, std::string_view text) {
  const auto length = static_cast<std::uint32_t>(text.size() + 1);
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((length >> shift) & 0xFF);
  out.append(text);
  out += '\0';
}

// The text is the field's first L - 1 bytes: a scrambled byte may be zero.
bool ReadField(std::istream& in, std::string& text) {
  unsigned char size[4];
  if (!in.read(reinterpret_cast<char*>(size), sizeof size)) return false;
  const std::uint32_t length = size[0] | size[1] << 8 | size[2] << 16 | std::uint32_t{size[3]} << 24;
  if (length == 0 || length > kFieldBuffer) return false;
  std::string bytes(length, '\0');
  if (!in.read(bytes.data(), length)) return false;
  bytes.resize(length - 1);
  text = std::move(bytes);
  return true;
}

}  // namespace

std::string ScrambleText(std::string_view text) { return Scramble<true>(text); }
std::string UnscrambleText(std::string_view text) { return Scramble<false>(text); }

bool LoadAccountFile(const std::string& path, const ServerList& servers, Account& account) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return true;
  std::string magic, userId, password, location;
  if (!ReadField(in, magic)) return false;
  if (magic != kMagic) return true;
  if (!ReadField(in, userId) || !ReadField(in, password) || !ReadField(in, location)) return false;
  const bool ok =
      account.SetAccount(servers, UnscrambleText(userId), UnscrambleText(password), location);
  // The byte vouches for the stored texts only: an account left at its
  // defaults must not show as verified, or OK would save it over the file.
  char verified = 0;
  if (ok) account.SetVerified(in.read(&verified, 1) && verified == 1);
  return ok;
}

bool SaveAccountFile(const std::string& path, const Account& account) {
  std::string content;
  AppendField(content, kMagic);
  AppendField(content, ScrambleText(account.UserId()));
  AppendField(content, ScrambleText(account.Password()));
  AppendField(content, account.Profile().name);
  content += static_cast<char>(account.IsVerified() ? 1 : 0);
  return WriteFileAtomically(path, content, FileAccess::OwnerOnly);
}
