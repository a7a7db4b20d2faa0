barks	V 1.00
cat	N 1.00
dog	N 1.00
dogs	N 1.00
sees	V 1.00
the	DT 2.00
