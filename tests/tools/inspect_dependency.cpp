// A library that quor_inspect_needs_dependency needs. The build keeps it where
// the module does not find it, so that loading the module fails although the
// module's own file is there.
int quorInspectDependency() { return 42; }

// Loaded by itself, a module whose entry point was declared without
// extern "C": it exports the function only under its C++ name.
void* quorManagerInstance() { return nullptr; }
