// make-test-db OUT.mdb --preset NAME [--rows N] [--tables N] [--seed S]
int main() { return 1; }
