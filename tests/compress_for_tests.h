// Compressed forms of a text, made with the libraries the reader decodes with, for tests
// that feed compressed game files to the reader or the scan.
#pragma once

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <zstd.h>

#include <cstdint>
#include <string>

namespace kelvane {

// One zstd frame at level 3, with the checksum the zstd tool writes.
inline std::string Zstd(const std::string& plain) {
  std::string out(ZSTD_compressBound(plain.size()), '\0');
  ZSTD_CCtx* cctx = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, 3);
  ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1);
  out.resize(ZSTD_compress2(cctx, out.data(), out.size(), plain.data(), plain.size()));
  ZSTD_freeCCtx(cctx);
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

// One bzip2 stream.
inline std::string Bzip2(const std::string& plain) {
  unsigned size = static_cast<unsigned>(plain.size() + plain.size() / 100 + 1024);
  std::string out(size, '\0');
  BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(plain.data()),
                           static_cast<unsigned>(plain.size()), 9, 0, 0);
  out.resize(size);
  return out;
}

// One xz stream.
inline std::string Xz(const std::string& plain) {
  std::string out(lzma_stream_buffer_bound(plain.size()), '\0');
  size_t pos = 0;
  lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr,
                          reinterpret_cast<const uint8_t*>(plain.data()), plain.size(),
                          reinterpret_cast<uint8_t*>(out.data()), &pos, out.size());
  out.resize(pos);
  return out;
}

}  // namespace kelvane
