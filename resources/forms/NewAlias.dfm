object NewAliasForm: TNewAliasForm
  Left = 300
  Top = 200
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'New Database Alias'
  ClientHeight = 104
  ClientWidth = 276
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  HelpContext = 2030
  Position = poScreenCenter
  OnShow = FormShow
  PixelsPerInch = 96
  object DriverGroup: TGroupBox
    Left = 8
    Top = 8
    Width = 260
    Height = 52
    Caption = 'Database Driver Name'
    TabOrder = 0
    object DriverList: TComboBox
      Left = 10
      Top = 20
      Width = 240
      Height = 21
      Style = csDropDownList
      TabOrder = 0
    end
  end
  object OKBtn: TButton
    Left = 31
    Top = 70
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 1
  end
  object CancelBtn: TButton
    Left = 112
    Top = 70
    Width = 75
    Height = 25
    Cancel = True
    Caption = 'Cancel'
    ModalResult = 2
    TabOrder = 2
  end
  object HelpBtn: TButton
    Left = 193
    Top = 70
    Width = 75
    Height = 25
    Caption = '&Help'
    TabOrder = 3
    OnClick = HelpBtnClick
  end
end
