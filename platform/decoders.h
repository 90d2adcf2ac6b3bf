// Decoders of the compressed forms game files come in: zstd (several frames and skippable
// frames included), gzip (several members included), bzip2 and xz. The form is told by the
// first bytes of the content, never by the file's name.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace kelvane {

enum class Compression { None, Zstd, Gzip, Bzip2, Xz };

// The form of content that begins with the n bytes at head (n may be short of the whole
// magic number: a short plain file is plain).
Compression DetectCompression(const unsigned char* head, size_t n);
const char* CompressionName(Compression compression);

class Decoder {
 public:
  virtual ~Decoder() = default;
  // Decodes from [in, inEnd) into [out, outEnd), moving both pointers past what it used
  // and made. False on damaged data (Error() says what was wrong); throws std::bad_alloc
  // when the decoder finds no memory, as MakeDecoder does.
  virtual bool Decode(const unsigned char*& in, const unsigned char* inEnd, unsigned char*& out,
                      unsigned char* outEnd) = 0;
  // True between frames, members or streams: the data may end here.
  virtual bool AtBoundary() const = 0;
  const std::string& Error() const { return error_; }

 protected:
  std::string error_;
};

// A decoder of the given form (not None).
std::unique_ptr<Decoder> MakeDecoder(Compression compression);

}  // namespace kelvane
