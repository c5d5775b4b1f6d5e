NAME          RANGEFREE
ROWS
 N  COST
 L  LIM1
 G  LIM2
 E  MYEQN
 E  R4
 L  R5
 N  SPARE
COLUMNS
    X1        COST         1.0   LIM1         1.0
    X1        LIM2         1.0   SPARE        3.0
    X2        COST         2.0   LIM1         1.0
    X2        MYEQN       -1.0
    X3        COST        -1.0   MYEQN        1.0
    X3        R4           1.0
    X4        COST         1.0   R4           1.0
    X4        R5           1.0   LIM2         1.0
    X5        COST        -0.5   R5           1.0
    X5        LIM1         0.5
    X6        COST         3.0   R5          -1.0
RHS
    RHS       COST        -2.5
    RHS       LIM1         4.0   LIM2         1.0
    RHS       MYEQN        7.0   R4           9.0
    RHS       R5           6.0
RANGES
    RNG       LIM1         2.5   LIM2         3.0
    RNG       MYEQN        4.0   R4          -2.0
BOUNDS
 UP BND       X1           4.0
 FR BND       X3
 MI BND       X4
 UP BND       X4           5.0
 LO BND       X5          -1.0
 UP BND       X5           2.0
 FX BND       X6           0.5
ENDATA
