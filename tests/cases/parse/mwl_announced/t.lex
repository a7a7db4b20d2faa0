sees	V 1
New	ADJ 1
York	N 1
New York	NNP 1
