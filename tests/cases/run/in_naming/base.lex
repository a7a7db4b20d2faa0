the	DT 5
dog	N 3
barks	V 2
