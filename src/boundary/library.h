// The library's modules, brought up in order at load and down in reverse at unload.
#pragma once

namespace molvane {

// The allocator handshake first, so every later allocation is the host's;
// then the tools; the menu table last. False when the handshake failed (its
// box has been shown): nothing is set up and the library must not load.
bool LibraryInitialize() noexcept;

// The reverse order; the allocator handshake detaches last.
void LibraryFinalize() noexcept;

}  // namespace molvane
