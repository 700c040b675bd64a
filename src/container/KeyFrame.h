#pragma once
// Whether a stored video frame can be decoded on its own, by its first bytes.
#include <cstdint>

class ByteSource;

// An intra-coded MPEG-4 VOP, an H.264 IDR or parameter set, a JPEG picture;
// unknown formats count as key frames.
bool IsKeyFrame(ByteSource& source, uint64_t at, uint64_t size);
