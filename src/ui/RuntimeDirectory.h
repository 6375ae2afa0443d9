#pragma once
// The per-user runtime directory the toolkit wants. Desktop sessions set XDG_RUNTIME_DIR;
// where nothing did (a bare X server, a root shell, CI) the toolkit falls back to a
// directory of its own and warns on stderr. This sets the variable up first: a directory
// kelvor-runtime-UID in the temporary directory, owned by the user, mode 0700. Call before
// the application object exists; main thread.

// True when XDG_RUNTIME_DIR was already set or now names a usable directory; false (and
// the variable unset) when none could be made safely.
bool EnsureRuntimeDirectory();
