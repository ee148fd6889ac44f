#include "converter/read/png_idat_stream.h"

#include <algorithm>
#include <limits>

#include "converter/base/png_chunk.h"

namespace quorvel {
namespace {

Status Refused(const char* why) {
  return Fail(Error::kCorruptPng, std::string("Bilddaten: ") + why);
}

}  // namespace

IdatStream::~IdatStream() {
  if (started_) inflateEnd(&zlib_);
}

Status IdatStream::Start() {
  // libspng has walked these chunks already; the bounds are checked again
  // all the same, since this walk is our own.
  while (file_.size() >= next_chunk_ && file_.size() - next_chunk_ >= kChunkOverhead) {
    const uint8_t* chunk = &file_[next_chunk_];
    const uint32_t length = BigEndian32(chunk);
    if (IsChunkType(chunk, "IDAT")) break;
    if (length > kMaxChunkLength || length > file_.size() - next_chunk_ - kChunkOverhead)
      return Refused("Chunk über das Dateiende hinaus");
    next_chunk_ += kChunkOverhead + length;
  }
  if (inflateInit(&zlib_) != Z_OK) return Fail(Error::kOutOfMemory, "Entpacken");
  started_ = true;
  // zlib still reads the checksum, so the stream must end with one.
  if (inflateValidate(&zlib_, 0) != Z_OK) return Fail(Error::kInternal, "Entpacken");
  if (!NextChunk()) return Refused("no IDAT chunk");
  return Status::Ok();
}

bool IdatStream::NextChunk() {
  if (file_.size() < next_chunk_ || file_.size() - next_chunk_ < kChunkOverhead) return false;
  const uint8_t* chunk = &file_[next_chunk_];
  const uint32_t length = BigEndian32(chunk);
  if (!IsChunkType(chunk, "IDAT") || length > kMaxChunkLength ||
      length > file_.size() - next_chunk_ - kChunkOverhead)
    return false;
  // The checksum may straddle chunks.
  if (chunk_data_ != nullptr) KeepTail();
  chunk_data_ = chunk + kChunkDataOffset;
  zlib_.next_in = const_cast<uint8_t*>(chunk_data_);  // zlib only reads it
  zlib_.avail_in = length;
  next_chunk_ += kChunkOverhead + length;
  return true;
}

void IdatStream::KeepTail() {
  const size_t read = size_t(zlib_.next_in - chunk_data_);
  for (const uint8_t* p = zlib_.next_in - std::min<size_t>(read, 4); p < zlib_.next_in; ++p)
    tail_ = tail_ << 8 | *p;
}

bool IdatStream::Inflate() {
  const int result = inflate(&zlib_, Z_NO_FLUSH);
  if (result == Z_STREAM_END) {
    // zlib reads nothing past the checksum, so it ends what was read.
    KeepTail();
    ended_ = true;
    return true;
  }
  return result == Z_OK || result == Z_BUF_ERROR;
}

Status IdatStream::Read(uint8_t* out, size_t bytes) {
  if (!started_) return Fail(Error::kInternal, "IDAT-Strom nicht begonnen");
  while (bytes > 0) {
    if (ended_) return Refused("Datenstrom endet vor dem Bild");
    const uInt part = uInt(std::min<size_t>(bytes, std::numeric_limits<uInt>::max()));
    zlib_.next_out = out;
    zlib_.avail_out = part;
    while (zlib_.avail_out > 0 && !ended_) {
      if (zlib_.avail_in == 0 && !NextChunk()) return Refused("Datenstrom abgeschnitten");
      if (!Inflate()) return Refused("Datenstrom beschädigt");
    }
    const size_t done = part - zlib_.avail_out;
    out += done;
    bytes -= done;
  }
  return Status::Ok();
}

Status IdatStream::End() {
  if (!started_) return Fail(Error::kInternal, "IDAT-Strom nicht begonnen");
  // One byte of room: the end must come without it being used.
  uint8_t spare = 0;
  while (!ended_) {
    zlib_.next_out = &spare;
    zlib_.avail_out = 1;
    if (zlib_.avail_in == 0 && !NextChunk()) return Refused("Datenstrom abgeschnitten");
    if (!Inflate()) return Refused("Datenstrom beschädigt");
    if (zlib_.avail_out == 0) return Refused("mehr Daten, als das Bild fasst");
  }
  return Status::Ok();
}

}  // namespace quorvel
