// Whether a destination path names the very file a conversion reads.
//
// The converter never replaces its source: "urlaub.JPG" to "JPG" and, on a
// file system that ignores case (FAT and exFAT cards, Windows drives),
// "foto.jpg" to "JPG" would otherwise destroy the original. Two names are one
// file when the file system gives them one device and inode number: the same
// path, "./" and ".." forms, hard links and symbolic links. FUSE drivers for
// FAT and exFAT number files by the name they were looked up by, so there
// "foto.jpg" and "foto.JPG" get two numbers for one file; the second rule
// below catches that case.
//
// On Windows the identity is the volume serial number and the 64-bit file
// index, which every spelling and hard link of a name shares (FAT included),
// so identity alone decides there. ReFS's 128-bit file IDs are not compared:
// its 64-bit index can in principle repeat.
// Thread-safety: reentrant; the answer is only as current as the file system.
#ifndef KALVENIX_CONVERTER_FILE_SAME_FILE_H_
#define KALVENIX_CONVERTER_FILE_SAME_FILE_H_

#include <cstdint>
#include <string>

namespace quorvel {

// The source as opened: the identity its open descriptor or handle has
// (device and inode; on Windows the volume serial number and file index),
// and the path it was opened by. Keep the source open while this is used: a
// FUSE driver may give a path a new number once its last user is gone.
struct OpenedSource {
  uint64_t device = 0;
  uint64_t inode = 0;
  std::string path;
};

// True when replacing `destination` would replace the source: the existing
// file there (symbolic links followed) is the source by identity, or it lies
// on the source's device in the source's folder under a name equal to the
// source's but for ASCII case, and the folder does not list that spelling,
// so the file system found it by folding case. A destination that does not
// exist or cannot be looked at is not the source.
bool NamesTheSource(const std::string& destination, const OpenedSource& source);

}  // namespace quorvel

#endif  // KALVENIX_CONVERTER_FILE_SAME_FILE_H_
