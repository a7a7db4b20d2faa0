cat	N 2.00
dog	N 4.00
saw	V 2.00
the	DT 6.00
with	P 2.00
