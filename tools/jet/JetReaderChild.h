// The Jet reader: the only code that links libmdb. It runs in a child process
// of tarvix-db (the parent starts its own program with kJetReaderMode first),
// because libmdb may crash or hang on a damaged file.
#pragma once

namespace tarvix::tool {

inline constexpr const char* kJetReaderMode = "--jet-reader-child";

// argv after the mode: "read FILE". Lists the file's tables, then reads those asked for on standard input,
// writing the records of JetProtocol.h to standard output; returns the exit status.
int RunJetReaderChild(int argc, char** argv);

}  // namespace tarvix::tool
