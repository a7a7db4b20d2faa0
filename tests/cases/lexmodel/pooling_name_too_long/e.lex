the	DT 120
a	DT 80
an	DT 10
dog	NN 12
dogs	NNS 5 VBZ 1
man	NN 10 VB 1
saw	VBD 9 NN 2
telescope	NN 3
park	NN 4 VB 1
in	IN 40
with	IN 25
on	IN 15
and	CC 30
barks	VBZ 3 NNS 1
sees	VBZ 4
walks	VBZ 3 NNS 2
walked	VBD 4
lives	VBZ 2 NNS 1
old	JJ 6
big	JJ 5
new	JJ 4
she	PRP 10
he	PRP 12
it	PRP 9
Mary	NNP 6
John	NNP 7
York	NNP 1
New York	NNP 4
will	MD 6 NN 1
see	VB 5
time	NN 8 VB 1
flies	VBZ 2 NNS 2
like	IN 5 VB 2
arrow	NN 2
