dog	N 1
foo	ZZ 1
