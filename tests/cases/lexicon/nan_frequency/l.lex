the	DT nan
dog	N 1
barks	V 1
