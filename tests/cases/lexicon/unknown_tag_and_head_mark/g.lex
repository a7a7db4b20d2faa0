foo	XYZ 3
dog	N' 1
barks	V 1
