barks	V 0.00
cat	N 1.00
dog	N 0.00
dogs	N 1.00
sees	V 1.00
the	DT 1.00
