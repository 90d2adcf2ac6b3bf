// Compressed forms of a text, made with the libraries the reader decodes with, for tests
// that feed compressed game files to the reader or the scan.
#pragma once

#include <isa-l/igzip_lib.h>
#include <zstd.h>

#include <cstdint>
#include <string>

namespace kelvane {

// One zstd frame at level 3.
inline std::string Zstd(const std::string& plain) {
  std::string out(ZSTD_compressBound(plain.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), plain.data(), plain.size(), 3));
  return out;
}

// One gzip member.
inline std::string Gzip(const std::string& plain) {
  std::string out(plain.size() + plain.size() / 2 + 1024, '\0');
  isal_zstream stream;
  isal_deflate_init(&stream);
  stream.gzip_flag = IGZIP_GZIP;
  stream.end_of_stream = 1;
  stream.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(plain.data()));
  stream.avail_in = static_cast<uint32_t>(plain.size());
  stream.next_out = reinterpret_cast<uint8_t*>(out.data());
  stream.avail_out = static_cast<uint32_t>(out.size());
  isal_deflate(&stream);
  out.resize(out.size() - stream.avail_out);
  return out;
}

}  // namespace kelvane
