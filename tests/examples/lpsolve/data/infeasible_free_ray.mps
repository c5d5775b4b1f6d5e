NAME          INFRAY
ROWS
 N  OBJ
 G  C1
 L  C2
COLUMNS
    X         OBJ          1.0   C1           1.0
    X         C2           1.0
    Y         OBJ          1.0   C1           1.0
    Y         C2           1.0
    Z         OBJ         -1.0
RHS
    RHS       C1           4.0   C2           3.0
ENDATA
