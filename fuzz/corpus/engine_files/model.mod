Temporary Model File for Input to AarhusInv64
4 0 !NDatafiles, N vertical+lateral constrain columns
1 1 FWD01.tem
2 1 FWD01.tem
3 1 FWD02.tem
4 1 FWD02.tem
-1       !Niteration, (-1=forward, 0=forward + model analysis, >0=inversion)
 1 !# of layers, model 1
    100.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
 3 !# of layers, model 1
     50.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
     10.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
    300.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
     20.00 -1   !Thickness, prior STD, vert. constraints, horiz. constraints
     30.00 -1   !Thickness, prior STD, vert. constraints, horiz. constraints
     20.00 -1   !Depth, prior STD, vert. constraints, horiz. constraints
     50.00 -1   !Depth, prior STD, vert. constraints, horiz. constraints
 1 !# of layers, model 1
    100.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
 3 !# of layers, model 1
     50.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
     10.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
    300.00 -1   !Resistivity, prior STD, vert. constraints, horiz. constraints
     20.00 -1   !Thickness, prior STD, vert. constraints, horiz. constraints
     30.00 -1   !Thickness, prior STD, vert. constraints, horiz. constraints
     20.00 -1   !Depth, prior STD, vert. constraints, horiz. constraints
     50.00 -1   !Depth, prior STD, vert. constraints, horiz. constraints
