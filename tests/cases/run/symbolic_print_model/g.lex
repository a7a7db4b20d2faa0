the	DT
dog	N
dogs	N
barks	V
bark	V N
