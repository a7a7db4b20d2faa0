  x y 	N 2
New York	N 1
ärger	N 1
ZÄ	N 1
barks	V 1
