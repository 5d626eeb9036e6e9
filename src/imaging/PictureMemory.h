#pragma once
// Memory for decoded pictures, kept for the next one.
//
// A decoded photo is tens of megabytes: 48 MB for 12 megapixels. glibc gives a block that large a
// mapping of its own and unmaps it when it is freed, so every picture shown would start on fresh
// memory that the kernel must fault in and zero again, which can cost more than decoding it. Called
// once at start-up, before any picture is decoded, this keeps blocks up to the largest picture we
// decode in the heap: the next picture takes the memory of the last (zeroed by WipeImage before it
// was freed). The memory stays with the program, as much as the largest pictures shown at once.
namespace quorvane {

// False where the C library offers no such setting (nothing is changed then).
bool KeepPictureMemoryForReuse();

} // namespace quorvane
