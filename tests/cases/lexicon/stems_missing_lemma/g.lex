dog	N 1 dog
barks	V 1 bark	N 1
