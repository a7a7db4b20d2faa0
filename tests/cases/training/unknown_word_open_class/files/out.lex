barks	V 1.00
cat	N 0.00
dog	N 0.00
dogs	N 0.00
sees	V 0.00
the	DT 1.00
