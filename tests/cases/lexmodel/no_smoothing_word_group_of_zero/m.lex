cat	N 1.00 cat
dog	N 3.00 dog
leaf	N 3.00 leaf
leaves	N 0.50 leaf	N 0.50 leave
saw	V 4.00 see
the	DT 8.00 the
with	P 0.00 with
