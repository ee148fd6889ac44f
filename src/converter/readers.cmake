# Reading sources: sniff, the four format readers, EXIF orientation, colour.
target_sources(quorvel_core PRIVATE
  bmp_header.cpp
  bmp_reader.cpp
  checked_size.cpp
  colour_profile.cpp
  dct_scale.cpp
  declared_size.cpp
  decode.cpp
  exif_orientation.cpp
  gif_lzw.cpp
  gif_reader.cpp
  jpeg_reader.cpp
  orientation.cpp
  picture_header.cpp
  png_reader.cpp
  sniff.cpp
  srgb_transform_cache.cpp
)
