dog	N 3
cat	N 1
barks	V 1
