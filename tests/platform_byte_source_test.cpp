// Compressed game files: each form decodes to the plain bytes, frames, members and streams
// one after another included; damaged and cut data say so after the bytes before the damage.
#include <bzlib.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <unistd.h>
#include <zstd.h>

#include <cstring>
#include <string>

#include "compress_for_tests.h"
#include "platform/byte_source.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// A zstd skippable frame: its magic number, its size and that many bytes of anything.
std::string Skippable(const std::string& payload) {
  std::string frame = "\x50\x2A\x4D\x18";
  const uint32_t n = static_cast<uint32_t>(payload.size());
  frame += std::string(reinterpret_cast<const char*>(&n), 4);  // little-endian here
  return frame + payload;
}

// Games enough to fill several decoded blocks, and varied enough not to be one repeat.
std::string Games(int n) {
  std::string games;
  for (int i = 0; i < n; ++i)
    games += "[Event \"" + std::to_string(i) + "\"]\n\n1.e4 e5 2.Nf3 Nc6 " +
             std::to_string(int64_t{i} * 7919 % 1000) + " *\n\n";
  return games;
}

struct ReadBack {
  std::string bytes;
  bool failed = false;
  std::string damage;
  uint64_t fileBytes = 0;
};

// Everything a source gives for a file holding data, read in pieces of an odd size.
ReadBack ReadAll(const std::string& data) {
  TempDir dir;
  WriteFile(dir / "f", data);
  const int fd = ::open((dir / "f").c_str(), O_RDONLY);
  ReadBack r;
  {
    std::unique_ptr<ByteSource> source = OpenByteSource(fd);
    char buf[4099];
    for (;;) {
      const ssize_t n = source->Read(buf, sizeof buf);
      if (n < 0) r.failed = true;
      if (n <= 0) break;
      r.bytes.append(buf, static_cast<size_t>(n));
    }
    r.damage = source->Damage();
    r.fileBytes = source->FileBytesRead();
  }
  ::close(fd);
  return r;
}

TEST(CompressedInput, EveryFormDecodesToThePlainBytes) {
  const std::string plain = Games(60000);  // about 3 MB: several blocks
  const std::string half = plain.substr(0, plain.size() / 2), rest = plain.substr(half.size());
  struct Case {
    const char* what;
    std::string file;
  } cases[] = {
      {"plain", plain},
      {"zstd", Zstd(plain)},
      {"zstd, two frames and skippable frames",
       Skippable("index") + Zstd(half) + Skippable(std::string(100, 'x')) + Zstd(rest)},
      {"gzip", Gzip(plain)},
      {"gzip, two members", Gzip(half) + Gzip(rest)},
      {"bzip2", Bzip2(plain)},
      {"bzip2, two streams", Bzip2(half) + Bzip2(rest)},
      {"xz", Xz(plain)},
      {"xz, two streams", Xz(half) + Xz(rest)},
      {"gzip with zero padding, as gzip takes it", Gzip(plain) + std::string(4, '\0')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ReadBack r = ReadAll(c.file);
    EXPECT_FALSE(r.failed) << r.damage;
    EXPECT_TRUE(r.bytes == plain) << r.bytes.size() << " of " << plain.size();
    EXPECT_EQ(r.fileBytes, c.file.size());
  }
}

TEST(CompressedInput, BlocksUsedAgainHoldOnlyTheirNewBytes) {
  // Many more blocks than the decoder may run ahead, so that blocks the reader has used are
  // filled again; a partly filled last block follows full ones.
  const std::string plain = Games(400000) + "[Last]\n";  // about 20 MB
  ReadBack r = ReadAll(Zstd(plain));
  EXPECT_FALSE(r.failed) << r.damage;
  EXPECT_EQ(r.bytes.size(), plain.size());
  EXPECT_TRUE(r.bytes == plain);
}

TEST(CompressedInput, ShortAndEmptyFilesArePlain) {
  for (const std::string& file :
       {std::string(), std::string("\x1F"), std::string("BZh"), std::string("\x28\xB5\x2F")}) {
    ReadBack r = ReadAll(file);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.bytes, file);
  }
}

TEST(CompressedInput, CutOrDamagedDataFailsAfterTheBytesBeforeIt) {
  const std::string plain = Games(60000);
  struct Case {
    const char* what;
    std::string file;
    bool allDecoded;  // only the check after the data is missing
  } cases[] = {
      {"zstd cut", Zstd(plain).substr(0, Zstd(plain).size() * 2 / 3), false},
      {"gzip cut", Gzip(plain).substr(0, Gzip(plain).size() * 2 / 3), false},
      {"bzip2 cut", Bzip2(plain).substr(0, Bzip2(plain).size() * 2 / 3), false},
      {"xz cut", Xz(plain).substr(0, Xz(plain).size() * 2 / 3), false},
      {"gzip with a last byte gone", Gzip(plain).substr(0, Gzip(plain).size() - 1), true},
      {"gzip with more after its padding", Gzip(plain) + std::string(4, '\0') + "\x1F", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ReadBack r = ReadAll(c.file);
    EXPECT_TRUE(r.failed);
    EXPECT_FALSE(r.damage.empty());
    if (!c.allDecoded) {
      EXPECT_LT(r.bytes.size(), plain.size());
    }
    EXPECT_TRUE(plain.compare(0, r.bytes.size(), r.bytes) == 0) << "not a prefix";
  }
  // Garbage in the middle of a zstd frame.
  std::string broken = Zstd(plain);
  for (size_t i = broken.size() / 2; i < broken.size() / 2 + 64; ++i) broken[i] ^= 0x5A;
  ReadBack r = ReadAll(broken);
  EXPECT_TRUE(r.failed);
  EXPECT_FALSE(r.damage.empty());
  EXPECT_TRUE(plain.compare(0, r.bytes.size(), r.bytes) == 0);
}

TEST(CompressedInput, TheFormIsToldByTheFirstBytes) {
  struct Case {
    std::string head;
    Compression form;
  } cases[] = {
      {"\x28\xB5\x2F\xFD", Compression::Zstd},
      {"\x5F\x2A\x4D\x18", Compression::Zstd},
      {"\x1F\x8B\x08", Compression::Gzip},
      {"BZh9", Compression::Bzip2},
      {"BZh0", Compression::None},
      {std::string("\xFD"
                   "7zXZ\0",
                   6),
       Compression::Xz},
      {"[Event", Compression::None},
      {"\x1F\x8B", Compression::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(
        DetectCompression(reinterpret_cast<const unsigned char*>(c.head.data()), c.head.size()),
        c.form)
        << c.head;
}

}  // namespace
