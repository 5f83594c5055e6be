object NewDriverForm: TNewDriverForm
  Left = 300
  Top = 180
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'New ODBC Driver'
  ClientHeight = 318
  ClientWidth = 336
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnCreate = FormCreate
  PixelsPerInch = 96
  object DriverNameGroup: TGroupBox
    Left = 8
    Top = 8
    Width = 320
    Height = 50
    Caption = 'Driver Name'
    TabOrder = 0
    object DriverName: TEdit
      Left = 10
      Top = 18
      Width = 300
      Height = 21
      TabOrder = 0
    end
  end
  object ODBCDriverGroup: TGroupBox
    Left = 8
    Top = 64
    Width = 320
    Height = 50
    Caption = 'ODBC Driver Name'
    TabOrder = 1
    object ComboODBCDriver: TComboBox
      Left = 10
      Top = 18
      Width = 300
      Height = 21
      Style = csDropDownList
      TabOrder = 0
      OnChange = ComboODBCDriverChange
    end
  end
  object DSNGroup: TGroupBox
    Left = 8
    Top = 120
    Width = 320
    Height = 154
    Caption = 'Select Data Sources to Create Aliases'
    TabOrder = 2
    object ListDSN: TListBox
      Left = 10
      Top = 18
      Width = 300
      Height = 126
      MultiSelect = True
      TabOrder = 0
    end
  end
  object OKBtn: TButton
    Left = 91
    Top = 284
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 3
    OnClick = OKBtnClick
  end
  object CancelBtn: TButton
    Left = 172
    Top = 284
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 4
  end
  object HelpBtn: TButton
    Left = 253
    Top = 284
    Width = 75
    Height = 25
    Caption = '&Help'
    TabOrder = 5
    OnClick = HelpBtnClick
  end
end
