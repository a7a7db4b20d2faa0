 New York 	N 2
the	DT 1
dog	N 1	
barks	V 1
