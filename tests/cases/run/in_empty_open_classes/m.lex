dog	N 1
