the	DT 1
dog	N 1
barks	V 1
