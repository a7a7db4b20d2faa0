foo	XYZ 3 foo
dog	N 1 dog
barks	V 1 bark
