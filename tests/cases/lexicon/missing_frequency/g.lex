dog	N 1

barks	V 1 N
