houses	NNS 40 house	VBZ 2 house
saw	V 3 see	V 1 saw	N 2 saw
sees	V 4 see
