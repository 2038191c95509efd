// A module that cannot load: the library that it needs is out of its reach.
int quorInspectDependency();

int quorInspectUsesDependency() { return quorInspectDependency(); }
