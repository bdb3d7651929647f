// MS3D reader: turns a model file into a model's four arrays, refusing any file that breaks its own counts.
#pragma once

#include "assets/model_arrays.h"

#include <cstddef>
#include <cstdint>

// A file whose indices leave their arrays is refused whole rather than patched: the real
// files that do so are damaged (a line-ending conversion that shifts every index after it)
// or deliberately invalid, and drawing what survives would show garbage.
//
// Reads a whole file image. `arrays` must be empty on entry. On success it holds the
// vertices, triangles, meshes (the file's groups) and materials, every index in range, and
// `version` (when given) the file's version. On refusal nothing stays allocated and, when
// `reason` is given, it holds a sentence saying why: the byte that differs, the version
// found, how many bytes are missing or which index is out of range.
bool readMs3d(const uint8_t *image, size_t size, ModelArrays &arrays, int32_t *version, char *reason,
              size_t reasonSize);

// Opens `fileName` for binary reading and reads it as above. The header is checked before anything else is
// read, a file longer than the largest possible model is refused unread, and of the rest only the bytes up to
// the end of the last material are taken, with one read.
bool readMs3dFile(const char *fileName, ModelArrays &arrays, int32_t *version, char *reason, size_t reasonSize);
