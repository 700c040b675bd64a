#pragma once
// Test recordings, made at test time.
#include <string>

// A dash-camera recording (AVI or MOV by the name's extension) of the given
// length and frame size: written by trk-synth when it is built next to the
// tests, otherwise a plain MPEG-4 clip made by the ffmpeg program. how
// receives which of the two made it.
bool MakeRecording(const std::string& path, int seconds, int width, int height, std::string* how = nullptr);

// An asymmetric still picture as an MJPEG AVI: blue, with a red block of a
// quarter of the width and height in the top left corner. Nothing in it is
// green, so a green marquee stands out.
bool MakeBoxClip(const std::string& path, int seconds, int width, int height);

// Decodes a picture file (PNG, JPEG) to packed RGB with the ffmpeg program.
struct RgbImage;
bool DecodePicture(const std::string& path, int width, int height, RgbImage* image);

// Width and height from a PNG file's header; false when it is not a PNG.
bool PngSize(const std::string& path, int* width, int* height);
