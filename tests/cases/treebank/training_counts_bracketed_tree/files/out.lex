cat	N 1.00
dog	N 2.00
saw	V 1.00
the	DT 3.00
with	P 1.00
