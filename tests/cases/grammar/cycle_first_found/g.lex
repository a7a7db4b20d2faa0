n	N 1
