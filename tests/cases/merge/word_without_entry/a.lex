John	NNP 0.00
Mary	NNP 0.00
New York	NNP 0.00
York	NNP 0.00
a	DT 0.00
an	DT 0.00
and	CC 0.00
arrow	NN 0.00
barks	NNS 0.00	VBZ 0.00
big	JJ 0.00
dog	NN 0.00
dogs	NNS 0.00	VBZ 0.00
flies	NNS 0.00	VBZ 0.00
he	PRP 0.00
in	IN 0.00
it	PRP 0.00
like	IN 0.00	VB 0.00
lives	NNS 0.00	VBZ 0.00
man	NN 1.00	VB 0.00
new	JJ 0.00
old	JJ 0.00
on	IN 0.00
park	NN 0.00	VB 0.00
saw	NN 0.00	VBD 1.00
see	VB 0.00
sees	VBZ 0.00
she	PRP 1.00
telescope	NN 0.00
the	DT 1.00
time	NN 0.00	VB 0.00
walked	VBD 0.00
walks	NNS 0.00	VBZ 0.00
will	MD 0.00	NN 0.00
with	IN 0.00
