// The reading side's limits, each with the reason for its number.
//
// Every size a file declares is held against these before a pixel buffer is
// allocated, so a small hostile file cannot make the host allocate gigabytes
// or spin for minutes. Thread-safety: constants only.
#ifndef KALVENIX_CONVERTER_BASE_LIMITS_H_
#define KALVENIX_CONVERTER_BASE_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace quorvel {

// 256 megapixels: twice the largest medium-format camera sensors and far
// beyond any picture a user converts in a batch, yet small enough that the
// RGBA buffer (1 GiB) fits beside the program on an ordinary desktop.
inline constexpr uint64_t kMaxPixels = 256ull * 1000 * 1000;

// Applies to the picture the converter writes as well: a box of 30000 x 30000
// would otherwise let a 1 KB source allocate gigabytes of output.
inline constexpr uint64_t kMaxOutputPixels = kMaxPixels;

// One decoded 8-bit RGBA picture at the pixel limit.
inline constexpr size_t kMaxDecodedBytes = size_t{kMaxPixels} * 4;

// A decoded picture and the one copy that orientation or colour conversion
// makes must fit together into a share of the machine's memory: half leaves
// room for the program and the desktop around it.
inline constexpr unsigned kMemoryShareDivisor = 2;

// No real picture is wider or taller than this (a 16-million-pixel-wide
// panorama); libspng's own ceiling, 2^31 - 1, would admit absurd headers.
inline constexpr uint32_t kMaxSide = 1u << 24;

// libjpeg's working memory (progressive coefficient buffers take about 3
// bytes per pixel at 4:2:0): 768 MiB covers a progressive picture at the
// pixel limit; anything wanting more fails instead of swapping.
inline constexpr long kJpegMaxMemory = 768l * 1024 * 1024;

// A progressive JPEG of a real camera or editor has at most a few dozen
// scans; thousands of tiny scans are a known way to make a small file cost
// minutes of decoding.
inline constexpr int kJpegMaxScans = 500;

// libjpeg warns and carries on over damaged entropy data; a few warnings
// (junk bytes before a marker) still give a good picture, a run of them
// means the pixels are garbage.
inline constexpr int kJpegMaxWarnings = 8;

// Every Huffman-coded 8x8 block costs at least one bit, so a file cannot
// honestly describe more than 512 pixels per byte; a header claiming more is
// refused before its buffers exist. (Arithmetic coding has no such floor.)
inline constexpr uint64_t kMaxPixelsPerHuffmanByte = 512;

// The adaptive arithmetic coder can describe a flat block in a fraction of
// a bit, so it has no such floor; 1/8 bit per block still admits any real
// photo many times over, while a few hundred bytes can no longer claim a
// picture of hundreds of megapixels.
inline constexpr uint64_t kMaxPixelsPerArithmeticByte = 4096;

// Deflate expands at most 1032:1; a PNG whose raw rows would need more than
// that from the whole file is refused from its header.
inline constexpr uint64_t kMaxDeflateExpansion = 1032;

// LZW with a full 4096-entry table emits at most 4096 pixels per 12-bit code
// (about 2731 per byte); a GIF frame larger than its data allows is refused.
inline constexpr uint64_t kMaxLzwPixelsPerByte = 2731;

// Area a file may leave blank at no cost in its data: the logical screen
// of a GIF around its first frame, the pixels an RLE bitmap skips with
// end-of-line and delta codes. Real pictures leave little blank; 4 MP
// (16 MiB as RGBA) allows them while a crafted header can no longer make a
// tiny file fill and convert a gigabyte of nothing.
inline constexpr uint64_t kMaxBlankPixels = 4ull * 1024 * 1024;

// An RLE bitmap paints at most 255 pixels per 2-byte code.
inline constexpr uint64_t kMaxRlePixelsPerByte = 128;

// libspng: one ancillary chunk (text, ICC, EXIF) and all of them together.
// Real ICC profiles stay below 1 MiB and EXIF below 64 KiB; 16 MiB also
// stops a zlib bomb in a text chunk.
inline constexpr size_t kPngMaxChunkBytes = 16u * 1024 * 1024;
inline constexpr size_t kPngMaxChunkCacheBytes = 64u * 1024 * 1024;

// ICC profiles larger than this are not real (the biggest device-link
// profiles are a few MiB) and are ignored rather than parsed.
inline constexpr size_t kMaxIccBytes = 16u * 1024 * 1024;

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_BASE_LIMITS_H_
