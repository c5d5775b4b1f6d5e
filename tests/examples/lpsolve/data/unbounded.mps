NAME          UNBND
ROWS
 N  OBJ
 G  C1
 L  C2
COLUMNS
    X         OBJ         -1.0   C1           1.0
    X         C2           1.0
    Y         OBJ         -2.0   C1           1.0
    Y         C2          -1.0
RHS
    RHS       C1           1.0   C2           2.0
ENDATA
