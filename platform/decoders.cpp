#include "platform/decoders.h"

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <lzma.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <cstring>
#include <new>
#include <string>

namespace kelvane {

namespace {

// zstd: the library reads frame after frame, skippable frames included.
class ZstdDecoder : public Decoder {
 public:
  ZstdDecoder() : stream_(ZSTD_createDStream()) {
    if (!stream_) throw std::bad_alloc();
    ZSTD_initDStream(stream_);
  }
  ~ZstdDecoder() override { ZSTD_freeDStream(stream_); }
  bool Decode(const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
              unsigned char* outEnd) override {
    ZSTD_inBuffer input{in, static_cast<size_t>(inEnd - in), 0};
    ZSTD_outBuffer output{out, static_cast<size_t>(outEnd - out), 0};
    const size_t hint = ZSTD_decompressStream(stream_, &output, &input);
    in += input.pos;
    out += output.pos;
    if (ZSTD_isError(hint)) {
      if (ZSTD_getErrorCode(hint) == ZSTD_error_memory_allocation) throw std::bad_alloc();
      error_ = ZSTD_getErrorName(hint);
      return false;
    }
    // A frame is complete and flushed; a call that took and gave nothing changes nothing.
    if (input.pos > 0 || output.pos > 0) boundary_ = hint == 0;
    return true;
  }
  bool AtBoundary() const override { return boundary_; }

 private:
  ZSTD_DStream* stream_;
  bool boundary_ = true;
};

// gzip with ISA-L, member after member.
class GzipDecoder : public Decoder {
 public:
  GzipDecoder() { Reset(); }
  bool Decode(const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
              unsigned char* outEnd) override {
    if (state_.block_state == ISAL_BLOCK_FINISH) {
      // Zero bytes after a member are padding, as gzip takes them: the data may end there.
      while (in < inEnd && *in == 0) {
        ++in;
        padding_ = true;
      }
      if (in == inEnd) return true;
      if (padding_) {
        error_ = "not a gzip member";
        return false;
      }
      Reset();  // the next member begins
    }
    state_.next_in = const_cast<unsigned char*>(in);
    state_.avail_in = static_cast<uint32_t>(inEnd - in);
    state_.next_out = out;
    state_.avail_out = static_cast<uint32_t>(outEnd - out);
    const int result = isal_inflate(&state_);
    in = state_.next_in;
    out = state_.next_out;
    if (result < 0) {
      error_ = result == ISAL_INVALID_WRAPPER ? "not a gzip member" : "damaged deflate data";
      if (result == ISAL_INCORRECT_CHECKSUM) error_ = "checksum mismatch";
      return false;
    }
    started_ = true;
    return true;
  }
  bool AtBoundary() const override { return !started_ || state_.block_state == ISAL_BLOCK_FINISH; }

 private:
  void Reset() {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_GZIP;
    started_ = false;
  }
  inflate_state state_;
  bool started_ = false;
  bool padding_ = false;  // zero bytes after the last member
};

// bzip2, stream after stream.
class Bzip2Decoder : public Decoder {
 public:
  Bzip2Decoder() { Init(); }
  ~Bzip2Decoder() override { BZ2_bzDecompressEnd(&stream_); }
  bool Decode(const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
              unsigned char* outEnd) override {
    if (ended_) {
      if (in == inEnd) return true;
      BZ2_bzDecompressEnd(&stream_);
      Init();  // the next stream begins
    }
    stream_.next_in = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    stream_.avail_in = static_cast<unsigned>(inEnd - in);
    stream_.next_out = reinterpret_cast<char*>(out);
    stream_.avail_out = static_cast<unsigned>(outEnd - out);
    const int result = BZ2_bzDecompress(&stream_);
    in = reinterpret_cast<const unsigned char*>(stream_.next_in);
    out = reinterpret_cast<unsigned char*>(stream_.next_out);
    if (result == BZ_STREAM_END) {
      ended_ = true;
      return true;
    }
    if (result == BZ_MEM_ERROR) throw std::bad_alloc();
    if (result != BZ_OK) {
      error_ = result == BZ_DATA_ERROR_MAGIC ? "not a bzip2 stream" : "damaged bzip2 data";
      return false;
    }
    started_ = true;
    return true;
  }
  bool AtBoundary() const override { return ended_ || !started_; }

 private:
  void Init() {
    std::memset(&stream_, 0, sizeof stream_);
    if (BZ2_bzDecompressInit(&stream_, 0, 0) == BZ_MEM_ERROR) throw std::bad_alloc();
    ended_ = started_ = false;
  }
  bz_stream stream_;
  bool ended_ = false;
  bool started_ = false;
};

// xz: the library reads concatenated streams itself.
class XzDecoder : public Decoder {
 public:
  XzDecoder() {
    const lzma_ret result = lzma_stream_decoder(&stream_, UINT64_MAX, LZMA_CONCATENATED);
    if (result == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (result != LZMA_OK) error_ = "xz decoder not available";
  }
  ~XzDecoder() override { lzma_end(&stream_); }
  bool Decode(const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
              unsigned char* outEnd) override {
    stream_.next_in = in;
    stream_.avail_in = static_cast<size_t>(inEnd - in);
    stream_.next_out = out;
    stream_.avail_out = static_cast<size_t>(outEnd - out);
    // At the end of the input the library is told so, and answers whether the data may end.
    const lzma_ret result = lzma_code(&stream_, in == inEnd ? LZMA_FINISH : LZMA_RUN);
    in = stream_.next_in;
    out = stream_.next_out;
    if (result == LZMA_STREAM_END) {
      ended_ = true;
      return true;
    }
    // A shortage of memory is no damage of the data.
    if (result == LZMA_MEM_ERROR || result == LZMA_MEMLIMIT_ERROR) throw std::bad_alloc();
    if (result != LZMA_OK && result != LZMA_BUF_ERROR) {
      error_ = result == LZMA_FORMAT_ERROR ? "not an xz stream"
               : result == LZMA_DATA_ERROR ? "damaged xz data"
                                           : "xz decoding failed";
      return false;
    }
    return true;
  }
  bool AtBoundary() const override { return ended_; }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
  bool ended_ = false;
};

bool Starts(const unsigned char* head, size_t n, const char* magic, size_t m) {
  return n >= m && std::memcmp(head, magic, m) == 0;
}

}  // namespace

Compression DetectCompression(const unsigned char* head, size_t n) {
  if (Starts(head, n, "\x28\xB5\x2F\xFD", 4)) return Compression::Zstd;
  // A zstd file may begin with a skippable frame: 0x184D2A50 to 0x184D2A5F, little-endian.
  if (n >= 4 && (head[0] & 0xF0) == 0x50 && head[1] == 0x2A && head[2] == 0x4D && head[3] == 0x18)
    return Compression::Zstd;
  if (Starts(head, n, "\x1F\x8B\x08", 3)) return Compression::Gzip;
  if (Starts(head, n, "BZh", 3) && n >= 4 && head[3] >= '1' && head[3] <= '9')
    return Compression::Bzip2;
  if (Starts(head, n, "\xFD" "7zXZ\x00", 6)) return Compression::Xz;
  return Compression::None;
}

const char* CompressionName(Compression compression) {
  switch (compression) {
    case Compression::Zstd:
      return "zstd";
    case Compression::Gzip:
      return "gzip";
    case Compression::Bzip2:
      return "bzip2";
    case Compression::Xz:
      return "xz";
    case Compression::None:
      break;
  }
  return "plain";
}

std::unique_ptr<Decoder> MakeDecoder(Compression compression) {
  switch (compression) {
    case Compression::Zstd:
      return std::make_unique<ZstdDecoder>();
    case Compression::Gzip:
      return std::make_unique<GzipDecoder>();
    case Compression::Bzip2:
      return std::make_unique<Bzip2Decoder>();
    case Compression::Xz:
      return std::make_unique<XzDecoder>();
    case Compression::None:
      break;
  }
  return nullptr;
}

}  // namespace kelvane
