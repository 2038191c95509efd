// A library that quor_inspect_needs_dependency needs. The build keeps it where
// the module does not find it, so that loading the module fails although the
// module's own file is there.
int quorInspectDependency() { return 42; }
